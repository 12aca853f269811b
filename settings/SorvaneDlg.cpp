#include "base/pch.h"

#include "settings/SorvaneDlg.h"

#include "settings/SettingsStore.h"

IMPLEMENT_DYNAMIC(SorvaneDlg, CDialog)

SorvaneDlg::SorvaneDlg()
    : CDialog(IDD_SEARCH_SETTINGS, nullptr), m_strSubkey(SettingsSubkey), m_nMethod(IdenticalMethod)
{}

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
    // Reads -1 (no button is checked yet), which LoadMethod overwrites: the dialog has always
    // opened in these steps.
    UpdateData(TRUE);
    LoadMethod();
    // Checks again what LoadMethod checked, or, for a stored method other than 0 or 1, clears
    // both buttons: such a method opens with neither checked.
    UpdateData(FALSE);
    return TRUE;
}

void SorvaneDlg::LoadMethod()
{
    m_nMethod = ReadSearchMethod(m_strSubkey);
    // OnInitDialog's transfer that follows decides what shows; the check is kept as it has always
    // been made here.
    CheckRadioButton(IDC_RADIO_IDENTICAL, IDC_RADIO_CONTAINS,
                     m_nMethod == IdenticalMethod ? IDC_RADIO_IDENTICAL : IDC_RADIO_CONTAINS);
}

void SorvaneDlg::SaveMethod() { SaveSearchMethod(m_strSubkey, m_nMethod); }

void SorvaneDlg::OnBnClickedIdentical()
{
    m_nMethod = IdenticalMethod;
    SaveMethod();
}

void SorvaneDlg::OnBnClickedContains()
{
    m_nMethod = ContainsMethod;
    SaveMethod();
}
