#include "bench/Bandwidth.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Relay.h"
#include "TaskStoreProcess.h"
#include "TemporaryFolder.h"
#include "bench/BareOdbcRead.h"
#include "bench/BenchConnection.h"
#include "bench/BenchFigures.h"
#include "bench/RunProgram.h"

namespace bench {

namespace {
constexpr long long bandwidthRows = 100'000;
constexpr double bandwidthBits = 100e6;
}  // namespace

std::vector<PacketSizeFigure> measureBandwidth(int runs)
{
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    testsupport::TaskStoreProcess store({"", bandwidthRows, work.path() / "data", {}});
    std::vector<PacketSizeFigure> figures;
    for (const int size : {4096, 8192, 16384, 32767}) {
        testsupport::Relay relay(store.port(), testsupport::Relay::Link{std::chrono::microseconds(0), bandwidthBits});
        std::vector<double> seconds;
        std::uint64_t bytes = 0;
        for (int run = 0; run < runs; ++run) {
            db::OdbcConnection connection =
                benchConnection(relay.port(), "Encryption=require;PacketSize=" + std::to_string(size) + ";");
            relay.resetCounts();
            const auto started = Clock::now();
            if (readListBare(connection, 3600) != static_cast<std::size_t>(bandwidthRows))
                throw std::runtime_error("the read over the link did not return every row");
            seconds.push_back(secondsSince(started));
            bytes = relay.bytesFromServer();
        }
        figures.push_back({size, median(seconds), static_cast<double>(bytes) / static_cast<double>(bandwidthRows)});
    }
    return figures;
}

void printBandwidth(const std::vector<PacketSizeFigure>& figures)
{
    std::printf("\nthe list of %lld tasks over a link of %.0f Mbit/s, by TDS packet size (the tool asks for 4096)\n",
                bandwidthRows, bandwidthBits / 1e6);
    std::printf("| packet size | bytes from the server per row | time |\n|---|---|---|\n");
    for (const PacketSizeFigure& f : figures)
        std::printf("| %d | %.1f | %.3f s |\n", f.packetSize, f.bytesPerRow, f.seconds);
}

}  // namespace bench
