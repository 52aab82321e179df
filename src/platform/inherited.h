// What keeper may inherit from whatever started it, put back before it opens a file.
#pragma once

namespace keeper {

/// Puts back the process state that keeper's files and waits depend on and that its caller
/// may have changed; runs first thing in main, before any file is opened.
/// Windows: nothing to do. Note: Linux opens /dev/null on each of descriptors 0-2 that is
/// closed, so that none of keeper's own files takes one of them; gives SIGCHLD its default
/// disposition, as an ignored SIGCHLD leaves no exit code to read; and unblocks every signal,
/// as a blocked SIGTERM would never become a stop request.
void PutBackInheritedState();

}  // namespace keeper
