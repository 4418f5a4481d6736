#pragma once

namespace hv::linux_backend {

// SIGTERM (a logout, kill), SIGHUP (the terminal the copy was started from closing) and SIGINT
// (Ctrl+C) call close(data) from the event loop, between handlers, as a click on the close box
// would: the signal itself only wakes the loop. Signals that follow while that close stores the
// window's place are absorbed (logind sends SIGTERM and SIGHUP together at logout); only a copy
// held up by its error box, or by a close still unfinished kCloseBoundSeconds after the first
// signal, ends at the next one, at once, with status 1. A signal the copy was started ignoring
// (nohup) stays ignored.
void close_on_termination_signals(void (*close)(void* data), void* data);

// Longer than the settings lock is ever waited for, so that a close only slow in its turn is never cut.
inline constexpr int kCloseBoundSeconds = 30;

// The copy is held up by its error box, which only its user can dismiss: any signal from now on
// ends it at once.
void end_at_next_termination_signal();

}  // namespace hv::linux_backend
