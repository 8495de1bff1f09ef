// Inside the host: the calling thread's start-up failure text.
#pragma once

// The thread's buffer of kFailureTextCapacity bytes.
char* StartupFailureBuffer();
// Clears the text and the missing piece.
void ClearStartupFailureText();
void NoteStartupMiss(StartupMiss miss);
