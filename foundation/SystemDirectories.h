#pragma once
// The system's directories as the system gives them: without a trailing
// backslash except for a root. Empty when the system cannot tell.
class VString;

void getSystemDirectory(VString& result);
void getWindowsDirectory(VString& result);
