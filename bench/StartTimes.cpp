#include "bench/StartTimes.h"

#include <sstream>
#include <stdexcept>

#include "bench/BenchFigures.h"
#include "bench/RunProgram.h"

namespace bench {

StartTimes startTimesOf(double startedAt, const std::string& probeLine)
{
    std::istringstream in(probeLine);
    long long loaded = 0, exposed = 0, painted = 0;
    if (!(in >> loaded >> exposed >> painted) || !(loaded <= exposed && exposed <= painted))
        throw std::runtime_error("the start probe's line is not three readings in order: " + probeLine);
    const double loadedAt = static_cast<double>(loaded) / 1e9;
    const double exposedAt = static_cast<double>(exposed) / 1e9;
    const double paintedAt = static_cast<double>(painted) / 1e9;
    return {paintedAt - startedAt, loadedAt - startedAt, exposedAt - loadedAt, paintedAt - exposedAt};
}

StartTimes measureStart(const std::string& program, const std::string& probePluginDir)
{
    const double startedAt = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    const std::string line = runForOutput({program},
                                          {{"QT_QPA_PLATFORM", "offscreen"},
                                           {"QT_PLUGIN_PATH", probePluginDir},
                                           {"QT_QPA_GENERIC_PLUGINS", "shownprobe"}});
    return startTimesOf(startedAt, line);
}

StartTimes medianStart(const std::vector<StartTimes>& runs)
{
    const auto of = [&](double StartTimes::*figure) {
        std::vector<double> values;
        for (const StartTimes& run : runs)
            values.push_back(run.*figure);
        return median(values);
    };
    return {of(&StartTimes::total), of(&StartTimes::qtStart), of(&StartTimes::windowBuilt),
            of(&StartTimes::firstPaint)};
}

}  // namespace bench
