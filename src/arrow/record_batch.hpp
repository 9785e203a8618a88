// PLACEHOLDER: replaced by the Arrow C Data Interface layer.
#pragma once
namespace velkor::arrow {
class RecordBatch {};
}  // namespace velkor::arrow
