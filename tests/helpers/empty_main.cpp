// An executable that does nothing; the tests read its version note.
int main() { return 0; }
