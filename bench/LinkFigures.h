#pragma once
// What the user waits for over a link of 50 ms round trips (a VPN to a customer's server), beside
// the same on loopback; a relay between tool and server counts the round trips.
#include <string>
#include <vector>

namespace bench {

struct LinkFigure {
    std::string name;
    int roundTrips = 0;
    int least = 0;  // the protocol's least for the path; 0 where none is set (the peer)
    double loopback = 0;
    double linked = 0;
};

std::vector<LinkFigure> measureLink(int runs);
void printLink(const std::vector<LinkFigure>& figures);

// What the path may take over the link: its round trips at 50 ms each, plus its loopback time.
double linkBudget(const LinkFigure& figure);

}  // namespace bench
