#pragma once

namespace hv::linux_backend {

// SIGTERM (a logout, kill), SIGHUP (the terminal the copy was started from closing) and SIGINT
// (Ctrl+C) call close(data) from the event loop, between handlers, as a click on the close box
// would: the signal itself only wakes the loop. A second one ends the copy at once, with status 1;
// a signal the copy was started ignoring (nohup) stays ignored.
void close_on_termination_signals(void (*close)(void* data), void* data);

}  // namespace hv::linux_backend
