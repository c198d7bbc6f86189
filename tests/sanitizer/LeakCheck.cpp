// Proves that a leak still fails a test in the sanitizer build: this
// program leaks on purpose and is expected to fail.
#include <cstdio>

int* Kept = nullptr;

int main() {
    int* lost = new int[64];
    lost[0] = 1;
    Kept = new int[64]; // still reachable: not a leak
    std::printf("%d\n", lost[0]);
    lost = nullptr;
    return 0;
}
