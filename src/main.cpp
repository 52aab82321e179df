// keeper: keeps one application running and logs every start, restart, stop and failure.
#include "core/driver.h"
#include "platform/process_text.h"

int main(int argc, char** argv) {
    keeper::InitProcessText(argc, argv);
    return keeper::RunWatchdog();
}
