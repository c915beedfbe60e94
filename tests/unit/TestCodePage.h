#pragma once
#include "base/core/CodePage.h"

// The code page the unit tests run against: the platform's under Wine, the
// portable model natively.
const CodePage& TestCodePage();
