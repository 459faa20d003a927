// A write to a pipe or socket whose reader has gone raises SIGPIPE, and its default action ends the
// process on the spot: standard error on a pipe that was closed (`TolvaUSB 2>&1 | true`), an X server
// that went away or a peer that hung up would take the user's unsaved choices with it. Guarded, such a
// write fails with EPIPE instead, and the writer deals with that where it matters (the X connection's
// loss handler saves the settings; the single-instance channel gives up on the peer).
#pragma once

// Call first thing in main, before JUCE and the simulated device world start their threads. The
// signal is caught by a handler that does nothing rather than ignored: an ignored SIGPIPE would stay
// ignored in every program started from this one, a caught one is back to its default there.
void guardAgainstBrokenPipes();
