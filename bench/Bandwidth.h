#pragma once
// A big list over a link of limited bandwidth: the bytes a row costs on the wire, and the time at
// each TDS packet size the client may ask for (the tool's session is encrypted, so these are too).
#include <vector>

namespace bench {

struct PacketSizeFigure {
    int packetSize = 0;
    double seconds = 0;  // median of the runs
    double bytesPerRow = 0;
};

std::vector<PacketSizeFigure> measureBandwidth(int runs);
void printBandwidth(const std::vector<PacketSizeFigure>& figures);

}  // namespace bench
