// A program that only carries jvmhost's resources, for the resource tests
// while jvmhost.exe itself may not be built.
int main() { return 0; }
