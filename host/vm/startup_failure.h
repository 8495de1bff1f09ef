// Inside the host: the calling thread's start-up failure text.
#pragma once

// The thread's buffer of kFailureTextCapacity bytes.
char* StartupFailureBuffer();
// Clears the text and the missing piece.
void ClearStartupFailureText();
void NoteStartupMiss(StartupMiss miss);
// The composed 8-bit text holds only GBK and ASCII: its wide form is read
// from it with code page 936.
void KeepGbkFailureTextWide();
// A folder of this start-up could not be named in 8 bits (no short name the
// code page spells): a piece then found missing is noted as kUnusableFolder.
void NoteUnusableFolder();
