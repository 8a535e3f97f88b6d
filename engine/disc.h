// Disc presence: the marker file check and the request to insert a disc.
#pragma once

// The directory in which the marker of `disc` was found (its own directory first, then that of
// disc 1), or nullptr when the disc is not there. Never shows anything.
const char* FindDisc(int disc);

// True when the marker of `disc` is found.
bool CheckDisc(int disc);

// Asks the user to insert the disc; returns IDOK or IDCANCEL.
int PromptForDisc(int disc);

// The request texts, by disc (any number but 1 asks for disc 2).
const char* DiscRequestText(int disc);
