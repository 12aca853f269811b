// The framework header of the plug-in, included first by every one of its source files. The
// framework's headers bring <windows.h> in themselves and refuse to follow it, so nothing of
// the plug-in includes <windows.h> directly.
#pragma once

#include <afxwin.h>
