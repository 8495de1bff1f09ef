// The launcher: the interactive start of the application, one instance at a
// time.
//
//   interactive.cpp      the launch: start-up, braskMain, the failure box
//   single_instance.cpp  the running instance found and brought forward, or
//                        the product's processes ended
#pragma once

// ---------------------------------------------------------------------------
// Interactive launch and single instance (interactive.cpp, single_instance.cpp).
// Exit code of a launcher that could not start the Java application (also one
// that declined to: in session 0).
constexpr int kLaunchFailedExitCode = 2;
// text: the first argument as given, or null.
void RunInteractive(const wchar_t* text);
void EnsureSingleInstance();
void KillProcessesByName(const char* exeName);
