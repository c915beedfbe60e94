// Linked with one floor's whole library and only the floors below it: the
// link fails when that floor calls up into one above it.
int main() { return 0; }
