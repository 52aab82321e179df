// Prints the number of open handles of every running process whose executable has the
// file name given as the argument, one line per process; exit code 1 when none runs.
// The count comes from the system's handle table, which Wine fills for every process
// (GetProcessHandleCount answers only for the calling process there).
#include <windows.h>
// after windows.h, which they build on
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace {

struct HandleEntry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
    USHORT UniqueProcessId;
    USHORT CreatorBackTraceIndex;
    UCHAR ObjectTypeIndex;
    UCHAR HandleAttributes;
    USHORT HandleValue;
    PVOID Object;
    ULONG GrantedAccess;
};
struct HandleTable {
    ULONG NumberOfHandles;
    HandleEntry Handles[1];
};
constexpr auto SystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);

unsigned long HandlesOf(DWORD id) {
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    unsigned long count = 0;
    for (ULONG i = 0; i < table->NumberOfHandles; ++i)
        if (table->Handles[i].UniqueProcessId == static_cast<USHORT>(id)) ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    DWORD ids[4096];
    DWORD bytes = 0;
    if (!EnumProcesses(ids, sizeof ids, &bytes)) return 2;
    int found = 0;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        const HANDLE process =
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (process == nullptr) continue;
        char name[MAX_PATH];
        if (GetModuleBaseNameA(process, nullptr, name, sizeof name) > 0 &&
            lstrcmpiA(name, argv[1]) == 0) {
            std::printf("%lu\n", HandlesOf(ids[i]));
            ++found;
        }
        CloseHandle(process);
    }
    return found > 0 ? 0 : 1;
}
