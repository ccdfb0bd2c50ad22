// Entry of the engine test programs.
#include "testprogram.h"

int main(int argc, char** argv) {
    return RunTestProgram(argc, argv);
}
