#pragma once

namespace vesperine {

// How hot the machine runs, in rising order. Nominal and fair ask nothing of us; serious
// means the system is already shedding heat by slowing down; critical means it is close to
// its own emergency measures.
enum class ThermalState { nominal = 0, fair = 1, serious = 2, critical = 3 };

inline const char* thermalStateName(ThermalState state) {
    switch (state) {
        case ThermalState::nominal: return "nominal";
        case ThermalState::fair: return "fair";
        case ThermalState::serious: return "serious";
        case ThermalState::critical: return "critical";
    }
    return "nominal";
}

}  // namespace vesperine
