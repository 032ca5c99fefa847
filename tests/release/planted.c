/* Stands for a DLL an attacker left beside the downloaded exe. */
#include <windows.h>

__declspec(dllexport) int LumarsoPlanted(void) { return 42; }
