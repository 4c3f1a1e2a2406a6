// Watching the capture's calls into a system DLL from inside the test program:
// the slot of one imported function in this executable's import table is
// pointed at a test function while an ImportSpy lives. The test function
// records what it was given and calls the real one, so the platform still does
// the work.
#ifndef BOTTLEWATCH_TESTS_WINDOWS_IMPORT_SPY_H_
#define BOTTLEWATCH_TESTS_WINDOWS_IMPORT_SPY_H_

class ImportSpy {
 public:
  // dll: the import's module name ("gdi32.dll", any case); function: its
  // name. Throws std::runtime_error when the executable does not import it.
  ImportSpy(const char* dll, const char* function, void* replacement);
  ~ImportSpy();
  ImportSpy(const ImportSpy&) = delete;
  ImportSpy& operator=(const ImportSpy&) = delete;

  // The function the slot held before, to be called through.
  void* original() const { return original_; }

 private:
  void** slot_;
  void* original_;
};

#endif  // BOTTLEWATCH_TESTS_WINDOWS_IMPORT_SPY_H_
