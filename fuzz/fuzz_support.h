// Shared by the fuzz targets: message boxes are swallowed, not printed.
#ifndef PAGERATES_FUZZ_FUZZ_SUPPORT_H_
#define PAGERATES_FUZZ_FUZZ_SUPPORT_H_

extern "C" __attribute__((visibility("default"))) inline void PageratesShowMessageBox(
    const char*, const char*) {}

#endif  // PAGERATES_FUZZ_FUZZ_SUPPORT_H_
