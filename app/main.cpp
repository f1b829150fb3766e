#include "Shell.h"
#include "Unit1.h"

// Takes no arguments: nothing on the command line changes the program.
int main()
{
    return ApplicationMain(*Application, &Form1);
}
