// keeper: keeps one application running and logs every start, restart, stop and failure.
#include "core/driver.h"
#include "core/error_report.h"
#include "log/time_stamp.h"
#include "platform/inherited.h"
#include "platform/process_text.h"

int main(int argc, char** argv) {
    keeper::PutBackInheritedState();
    keeper::InitProcessText(argc, argv);
    keeper::ReadLocaleDateTimeSettings();
    return keeper::RunWithErrorReport(keeper::RunWatchdog);
}
