#include "base/pch.h"

#include "plugin/SorvaneApp.h"

BEGIN_MESSAGE_MAP(CSorvaneApp, CWinApp)
END_MESSAGE_MAP()

CSorvaneApp::CSorvaneApp() : CWinApp(nullptr) {}

BOOL CSorvaneApp::InitInstance()
{
    CWinApp::InitInstance();
    return TRUE;
}
