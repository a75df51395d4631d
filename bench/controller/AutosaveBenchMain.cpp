// Runs the autosave figures alone, until they join the controller's benchmark.
#include "AutosaveFigures.h"

int main()
{
    velmorak::printAutosaveFigures();
    return 0;
}
