// A minimal MFC-compatible layer on plain Win32: the part of MFC that a regular DLL with one
// application object and one modal dialog uses, under MFC's own names and with its semantics.
//
// Module state: every module that links this layer has its own state (AfxGetStaticModuleState),
// holding its application object and the instance whose resources it uses. The current state
// (AfxGetModuleState) is the process's own until a guard (AFX_MAINTAIN_STATE2) makes another
// current; resources such as dialog templates are looked up in the current state's module.
#pragma once

// The framework includes <windows.h> itself, with its own settings; a source file that included
// it before the framework would build here but not against the real framework.
#ifdef _WINDOWS_
#error "<windows.h> was included before <afxwin.h>: include the framework header first (the plug-in's pch.h)"
#endif

#include <windows.h>

class CObject;
class CWinApp;
class CWnd;

// Run-time class information as the shared framework lays it out: a class reaches its base
// class's information through a function, since a DLL's cannot be a constant address.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject*(PASCAL* m_pfnCreateObject)();
    CRuntimeClass*(PASCAL* m_pfnGetBaseClass)();

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

// clang-format off
#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())
#define _RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)                   \
protected:                                            \
    static CRuntimeClass* PASCAL _GetBaseClass();     \
public:                                               \
    static const CRuntimeClass class##class_name;     \
    static CRuntimeClass* PASCAL GetThisClass();      \
    CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                     \
    CRuntimeClass* PASCAL class_name::_GetBaseClass() { return RUNTIME_CLASS(base_class_name); }          \
    const CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class class_name), 0xFFFF,    \
                                                         nullptr, &class_name::_GetBaseClass};             \
    CRuntimeClass* PASCAL class_name::GetThisClass() { return _RUNTIME_CLASS(class_name); }               \
    CRuntimeClass* class_name::GetRuntimeClass() const { return _RUNTIME_CLASS(class_name); }

// clang-format on

class CObject {
public:
    static const CRuntimeClass classCObject;
    static CRuntimeClass* PASCAL GetThisClass();
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// Message maps.
class CCmdTarget;
struct AFX_CMDHANDLERINFO;
typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT_PTR nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// clang-format off
#define DECLARE_MESSAGE_MAP()                       \
protected:                                          \
    static const AFX_MSGMAP* GetThisMessageMap();   \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                  \
    {                                                                                \
        typedef theClass ThisClass [[maybe_unused]];                                 \
        typedef baseClass TheBaseClass;                                              \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                     \
    {0, 0, 0, 0, 0, nullptr}};                                                                \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                       \
    }

#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, (id), (id), 0, static_cast<AFX_PMSG>(memberFxn)},

// clang-format on

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Runs the handler that the message maps (the class's and its bases') give for the
    // command; FALSE when there is none. The last two arguments are not used here.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);
    HWND PrepareCtrl(int nIDC);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    void GetDlgItem(int nID, HWND* phWnd) const;

    HWND m_hWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    DECLARE_MESSAGE_MAP()
};

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override = default;

    // IDOK or IDCANCEL as the dialog ended, -1 when it could not be created.
    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);

protected:
    virtual void OnOK();
    virtual void OnCancel();
    DECLARE_MESSAGE_MAP()

    LPCWSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM) noexcept;
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    LPCWSTR m_pszAppName;
    HINSTANCE m_hInstance = nullptr;

protected:
    DECLARE_MESSAGE_MAP()
};

// Index of the checked button in the radio group that starts at nIDC (-1 when none) when
// saving; checks exactly the button at `value` when moving to the controls.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);

struct AFX_MODULE_STATE {
    CWinApp* m_pCurrentWinApp;
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    BOOL m_bDLL;
};

CWinApp* AfxGetApp();
AFX_MODULE_STATE* AfxGetModuleState();
AFX_MODULE_STATE* AfxGetStaticModuleState();
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNewState);
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// Makes a module state current for the guard's lifetime and restores the previous one.
struct AFX_MAINTAIN_STATE2 {
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pModuleState);
    ~AFX_MAINTAIN_STATE2();
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

    AFX_MODULE_STATE* m_pPrevModuleState;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

// Start-up and shut-down of the framework for the current module state: its instance and
// resource handles. The regular-DLL entry point (dllmodul.cpp) runs them around the application
// object's InitInstance and ExitInstance.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
void AfxWinTerm();
