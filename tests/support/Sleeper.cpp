// Stands in for a long-running process: waits until it is terminated.
#include <windows.h>

int main()
{
    Sleep(INFINITE);
    return 0;
}
