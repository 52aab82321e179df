// The watcher's status record, which a status query reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace keeper {

/// The identifier of keeper's own process.
std::uint32_t OwnProcessId();

/// Makes the status record of the watcher of the instance `name`, for this process alone
/// to write and for the processes of this user to read while it lives; the error when it
/// cannot be made.
/// Windows: a named file mapping "<name>:status" in the session's namespace, with the
/// default security. Note: Linux: the file "<name>.status" in the instance events'
/// directory, mode 0600, locked by the watcher for as long as it lives, and removed when it
/// exits (a return from main, or exit; a killed watcher leaves it, unlocked).
Result<Handle> CreateStatusRecord(const std::string& name);

/// Replaces the contents of the record with `bytes`, at most StatusRecordSize of them.
/// A reader may meet the record half written, and must be able to tell.
/// Note: Linux writes them with one pwrite; Windows copies them into the mapping.
void WriteStatusRecord(Handle record, std::string_view bytes);

/// At most this many bytes make a record.
inline constexpr std::size_t StatusRecordSize = 16384;

enum class RecordRead {
    NoWatcher,   ///< nobody holds the instance name
    Unreadable,  ///< the name is held, but its record cannot be read
    Read,
};

/// The contents of the status record of the watcher of the instance `name`, as they are now.
/// Windows: the watcher's mapping, while its instance event exists.
/// Note: Linux: the record file while a process holds its lock; the file of a killed watcher
/// stays behind without one, and counts no more.
RecordRead ReadStatusRecord(const std::string& name, std::string& bytes);

/// Writes `text` to the standard output, a line end being "\n".
/// Windows: to the standard output handle when keeper has one (redirected, or under Wine),
/// else to the console of the process that started keeper, with CR LF line ends; with
/// neither, nowhere. Note: Linux writes to descriptor 1 as it is.
void WriteStandardOutput(std::string_view text);

}  // namespace keeper
