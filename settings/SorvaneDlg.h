// The settings dialog: chooses the search method, saving each click of a radio button at once.
#pragma once

#include <afxwin.h>

#include <string>

#include "resources/resource.h"

// Without the framework's C prefix that CSorvaneApp has: the dialog class has always had this name.
class SorvaneDlg : public CDialog {
    DECLARE_DYNAMIC(SorvaneDlg)

public:
    enum { IDD = IDD_SEARCH_SETTINGS };

    SorvaneDlg();
    ~SorvaneDlg() override;

    std::wstring m_strSubkey;
    // The index of the checked radio button: IdenticalMethod (IDC_RADIO_IDENTICAL) or
    // ContainsMethod (IDC_RADIO_CONTAINS).
    int m_nMethod;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void LoadMethod();
    void SaveMethod();
    void OnBnClickedIdentical();
    void OnBnClickedContains();

    DECLARE_MESSAGE_MAP()
};
