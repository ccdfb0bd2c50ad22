// The program tockwell.
#include "app/startup.h"

int main(int argc, char** argv) {
    return RunTockwell(argc, argv);
}
