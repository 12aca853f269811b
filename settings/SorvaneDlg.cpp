#include "base/pch.h"

#include "settings/SorvaneDlg.h"

#include "settings/SettingsStore.h"

IMPLEMENT_DYNAMIC(SorvaneDlg, CDialog)

SorvaneDlg::SorvaneDlg() : CDialog(IDD_SEARCH_SETTINGS, nullptr), m_strSubkey(L"Sorvane"), m_nMethod(0) {}

SorvaneDlg::~SorvaneDlg() = default;

BEGIN_MESSAGE_MAP(SorvaneDlg, CDialog)
    ON_BN_CLICKED(IDC_RADIO_IDENTICAL, &SorvaneDlg::OnBnClickedIdentical)
    ON_BN_CLICKED(IDC_RADIO_CONTAINS, &SorvaneDlg::OnBnClickedContains)
END_MESSAGE_MAP()

void SorvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_RADIO_IDENTICAL, m_nMethod);
}

BOOL SorvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    UpdateData(TRUE);
    LoadMethod();
    // A stored method other than 0 or 1 leaves both buttons clear here.
    UpdateData(FALSE);
    return TRUE;
}

void SorvaneDlg::LoadMethod()
{
    m_nMethod = ReadSearchMethod(m_strSubkey);
    CheckRadioButton(IDC_RADIO_IDENTICAL, IDC_RADIO_CONTAINS,
                     m_nMethod == 0 ? IDC_RADIO_IDENTICAL : IDC_RADIO_CONTAINS);
}

void SorvaneDlg::SaveMethod() { SaveSearchMethod(m_strSubkey, m_nMethod); }

void SorvaneDlg::OnBnClickedIdentical()
{
    m_nMethod = 0;
    SaveMethod();
}

void SorvaneDlg::OnBnClickedContains()
{
    m_nMethod = 1;
    SaveMethod();
}
