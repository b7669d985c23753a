// What a settings-line pattern costs per file name, prepared once as the walk prepares it,
// against "*.exe" measured in the same run: a pattern of 100 million "*" then ".exe" must
// cost the same per name (its runs of "*" collapse), and "*a*a*a*a*b" must stay linear.
//
//   bench_wildcard [names]

#include "platform/FileSystem.h"
#include "platform/WildcardMatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile int g_sink;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Nanoseconds per name of one pass.
double onePass(const quenno::platform::WildcardPattern& pattern, const std::vector<std::string>& names)
{
    const auto start = Clock::now();
    int matched = 0;
    for (const std::string& name : names)
        matched += pattern.matches(name) ? 1 : 0;
    g_sink = matched;
    return seconds(start) * 1e9 / static_cast<double>(names.size());
}

// The two patterns timed back to back in alternating order, 21 rounds: the median ratio
// and the median of each, so that a busy machine moves both sides alike.
void paired(const char* peerName, const quenno::platform::WildcardPattern& peer, const char* subjectName,
            const quenno::platform::WildcardPattern& subject, const std::vector<std::string>& names)
{
    std::vector<double> peerNs;
    std::vector<double> subjectNs;
    std::vector<double> ratios;
    for (int round = 0; round < 21; ++round) {
        const bool peerFirst = round % 2 == 0;
        const double first = onePass(peerFirst ? peer : subject, names);
        const double second = onePass(peerFirst ? subject : peer, names);
        peerNs.push_back(peerFirst ? first : second);
        subjectNs.push_back(peerFirst ? second : first);
        ratios.push_back(subjectNs.back() / peerNs.back());
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-28s %8.1f ns/name | %-26s %8.1f ns/name | ratio median %.2f (middle half %.2f-%.2f)\n", peerName,
                median(peerNs), subjectName, median(subjectNs), ratios[10], ratios[5], ratios[15]);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        names.push_back("file" + std::to_string(i * 7919 % 100000)
                        + (i % 3 == 0       ? ".exe"
                               : i % 3 == 1 ? ".dll"
                                            : ".txt"));
    const std::vector<std::string> longNames(count / 10, std::string(254, 'a') + "c");

    const std::string stars = std::string(100'000'000, '*') + ".exe";
    auto start = Clock::now();
    const quenno::platform::WildcardPattern prepared(stars);
    const double prepare = seconds(start);
    const quenno::platform::WildcardPattern peer("*.exe");

    std::printf("100 million * then .exe prepared once in %.3f s\n", prepare);
    paired("*.exe (peer)", peer, "100 million * then .exe", prepared, names);

    const quenno::platform::WildcardPattern backtracker("*a*a*a*a*b");
    const quenno::platform::WildcardPattern peerLong("*b");
    paired("*b (peer), 255-byte names", peerLong, "*a*a*a*a*b", backtracker, longNames);

    // What a file cost before: the whole pattern read again for every name.
    start = Clock::now();
    int matched = 0;
    for (int i = 0; i < 5; ++i)
        matched += quenno::platform::wildcardMatch(stars, names[static_cast<std::size_t>(i)]) ? 1 : 0;
    g_sink = matched;
    std::printf("%-40s %10.1f ns/name  (unprepared, the pattern read per name)\n", "100 million * then .exe",
                seconds(start) * 1e9 / 5);
    return 0;
}
