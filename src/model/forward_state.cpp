#include "model/forward_state.hpp"

#include "timetable/timetable.hpp"

namespace velkor {

FwdModelStateGeneric FwdModelStateGeneric::create(const TimeTable& timetable, std::size_t size) {
    return FwdModelStateGeneric{get_dependency_graph(timetable), SnapMap{}, Ledger(size),
                                ValueVector{1.0}};
}

}  // namespace velkor
