#include <memory>

#include "common/Exit.h"
#include "engine/Velmora.h"

int main(int argc, char** argv) {
    velmora::installOutOfMemoryHandler();
    auto engine = std::make_unique<velmora::Velmora>();
    engine->parseCommandLine(argc, argv);
    if (engine->prepareScript() != 0) velmora::exitProcess(-1);
    if (engine->initialise() != 0) velmora::exitProcess(-1);
    engine->executeLabel();
}
