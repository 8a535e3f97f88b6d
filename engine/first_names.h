// Shared state of the first-name list readers.
#pragma once

// Shown for a first name that cannot be read from the list.
extern const char kFirstNameFallback[];

// Drops the one-entry first-name cache: it must not outlive the list it was read from.
void ForgetCachedFirstName();
