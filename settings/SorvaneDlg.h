// The settings dialog: chooses the search method, saving each click of a radio button at once.
#pragma once

#include <afxwin.h>

#include <string>

#include "resources/resource.h"

class SorvaneDlg : public CDialog {
    DECLARE_DYNAMIC(SorvaneDlg)

public:
    enum { IDD = IDD_SEARCH_SETTINGS };

    SorvaneDlg();
    ~SorvaneDlg() override;

    std::wstring m_strSubkey;
    int m_nMethod;  // 0 identical (IDC_RADIO_IDENTICAL), 1 contains (IDC_RADIO_CONTAINS)

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void LoadMethod();
    void SaveMethod();
    void OnBnClickedIdentical();
    void OnBnClickedContains();

    DECLARE_MESSAGE_MAP()
};
