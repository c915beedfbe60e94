#pragma once
#include "base/core/CodePage.h"

// The ANSI code page as the platform has it: CharLowerBuffA, CharUpperBuffA,
// CompareStringA, and the lead-byte set filled once from SM_DBCSENABLED and
// GetCPInfo.
const CodePage& SystemCodePage();
