#pragma once
// The first text the login window lays out waits for the system's font configuration to be read
// (tens of files on Linux). Reading it on a helper thread from the first line of main lets that
// overlap Qt's own start; Qt later finds it done.
#include <thread>

namespace gui {

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp() { finish(); }
    // Waits until the configuration has been read. Call it before the first text is laid out:
    // Qt would otherwise start reading the configuration a second time instead of waiting.
    void finish();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

private:
    std::thread thread_;
};

}  // namespace gui
