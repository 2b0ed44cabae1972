// How a thread of the program takes a core when it is woken.
#pragma once

namespace plat
{
/// From now on, the calling thread, once woken, waits for a free core or for the end of
/// the running thread's time slice instead of taking its core at once, and takes a smaller
/// share of a busy core, never none. Where the system offers no such policy, nothing
/// changes.
void DeferThreadWakeups();
} // namespace plat
