/* Machine-dependent JNI types for 64-bit Windows (the JDK's win32 jni_md.h). */
#ifndef JVMHOST_JNI_MD_H
#define JVMHOST_JNI_MD_H

#ifndef JNIEXPORT
#define JNIEXPORT __declspec(dllexport)
#endif
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
