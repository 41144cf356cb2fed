#include "Window/UpdaterApplication.h"

int main(int argc, char** argv)
{
    return UpdaterApplication::run(argc, argv);
}
