// A tap route's name, for the link tests' readable expectations.
#pragma once

#include "link/link_tap.h"

namespace linktest {

inline const char* RouteName(TapRoute r) {
    switch (r) {
    case TapRoute::Command:
        return "Command";
    case TapRoute::Reply:
        return "Reply";
    case TapRoute::ScanReport:
        return "ScanReport";
    case TapRoute::Echo:
        return "Echo";
    case TapRoute::Dropped:
        return "Dropped";
    case TapRoute::Unclaimed:
        return "Unclaimed";
    case TapRoute::Partial:
        return "Partial";
    }
    return "?";
}

}  // namespace linktest
