// Fixed texts of jvmhost.  The Chinese ones are GBK (code page 936) bytes,
// read with code page 936 whatever the system's ANSI code page, and handed to
// the wide Windows functions.
#pragma once

// Java virtual machine not found ("path").  Takes the jvm.dll path.
#define TEXT_JVM_NOT_FOUND "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD0\xE9\xC4\xE2\xBB\xFA(\"%s\")\xA1\xA3"
// Dynamic-link library call failed: LoadLibrary(path).
#define TEXT_LOADLIBRARY_FAILED \
  "\xB6\xAF\xCC\xAC\xC1\xB4\xBD\xD3\xBF\xE2\xB5\xF7\xD3\xC3\xCA\xA7\xB0\xDC: LoadLibrary(%s)"
// The JNI interface functions cannot be found in path.
#define TEXT_JNI_ENTRY_MISSING \
  "\xD4\xDA %s \xD6\xD0\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xE0\xD3\xA6\xB5\xC4JNI\xBD\xD3\xBF\xDA\xBA\xAF\xCA\xFD"
// Tail: two line feeds, "error code: %d", a tab, "cause: %s" (full-width colons).
#define TEXT_ERROR_TAIL "\x0A\x0A\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA%d\x09\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xA3\xBA%s"
// Error initialising the Java VM, error code: %d (result text), full-width punctuation.
#define TEXT_VM_INIT_FAILED                                                                    \
  "\xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED\xA3\xAC\xB4\xED\xCE\xF3" \
  "\xB4\xFA\xC2\xEB\xA3\xBA%d \xA3\xA8%s\xA3\xA9"

// Result texts of creation or attachment.
#define TEXT_JNI_ERR "\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xB2\xBB\xC3\xF7"  // cause unclear
#define TEXT_JNI_EDETACHED "thread detached from the VM"
#define TEXT_JNI_EVERSION "JNI version error"
#define TEXT_JNI_ENOMEM "not enough memory"
#define TEXT_JNI_EEXIST "VM already created"
#define TEXT_JNI_EINVAL "invalid arguments"
#define TEXT_JNI_UNKNOWN "\xCE\xB4\xD6\xAA\xB5\xC4\xB4\xED\xCE\xF3"  // unknown error

// Interactive launcher.
#define TEXT_GUARD_MUTEX "BraskFlag"
// Title of the Java application's main window: product name - enjoy your designs.
#define TEXT_MAIN_WINDOW_TITLE "\xC7\xE0\xBA\xCC\xD6\xDB - \xB3\xA9\xCF\xED\xC4\xFA\xB5\xC4\xC9\xE8\xBC\xC6"
// The program was found to be running already!
#define TEXT_ALREADY_RUNNING \
  "\xBC\xEC\xB2\xE2\xB5\xBD\xC7\xE0\xBA\xCC\xD6\xDB\xB3\xCC\xD0\xF2\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0\xA3\xA1"
#define TEXT_ERROR_CAPTION "\xB4\xED\xCE\xF3"  // error
// The product's executable file name.
#define TEXT_PRODUCT_EXE "\xC7\xE0\xBA\xCC\xD6\xDB.exe"

// Launcher failures that start-up composes no text for.
// The product's installation directory was not found.
#define TEXT_NO_APP_HOME \
  "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC7\xE0\xBA\xCC\xD6\xDB\xB5\xC4\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xA1\xA3"
// No Java runtime environment was found.
#define TEXT_NO_JAVA_RUNTIME "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD4\xCB\xD0\xD0\xBB\xB7\xBE\xB3\xA1\xA3"
// The product's Java program cannot be started (class or methods missing).
#define TEXT_NO_JAVA_APPLICATION \
  "\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xC7\xE0\xBA\xCC\xD6\xDB\xB5\xC4JAVA\xB3\xCC\xD0\xF2\xA1\xA3"
// The name of the folder of the product or of its Java runtime cannot be
// used. Please install it into a folder whose name has only English letters
// and digits.
#define TEXT_FOLDER_NAME_UNUSABLE                                                                  \
  "\xC7\xE0\xBA\xCC\xD6\xDB\xBB\xF2\xC6\xE4JAVA\xD4\xCB\xD0\xD0\xBB\xB7\xBE\xB3\xCB\xF9\xD4\xDA" \
  "\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xC3\xFB\xB3\xC6\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xA1\xA3"   \
  "\xC7\xEB\xBD\xAB\xC6\xE4\xB0\xB2\xD7\xB0\xB5\xBD\xC3\xFB\xB3\xC6\xD6\xBB\xBA\xAC\xD3\xA2"   \
  "\xCE\xC4\xD7\xD6\xC4\xB8\xBA\xCD\xCA\xFD\xD7\xD6\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0\xD6\xD0\xA1\xA3"
