#pragma once
// The first text the login window lays out waits for the system's font configuration to be read
// (tens of files on Linux). Reading it on a helper thread from the first line of main lets that
// overlap Qt's own start; Qt later finds it done.
#include <thread>

namespace gui {

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    // Waits for the helper thread, which has long finished by the time the program ends.
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

private:
    std::thread thread_;
};

}  // namespace gui
