#include "tests/unit/TestCodePage.h"

#ifdef _WIN32
#include "base/CodePageWin32.h"
const CodePage& TestCodePage() { return SystemCodePage(); }
#else
const CodePage& TestCodePage() { return CodePage932Model(); }
#endif
