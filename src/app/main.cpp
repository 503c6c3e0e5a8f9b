#include "app/app.h"

int main(int argc, char** argv) {
    return tiku::runProgram(argc, argv);
}
