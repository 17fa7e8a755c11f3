// A program that does nothing: built with different version resources, it
// stands in for the host's program file in the version tests.
int main() {
  return 0;
}
