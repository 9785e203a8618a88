#include "python_module/pyapi.hpp"

#include <limits>
#include <string>

#include "core/number_format.hpp"
#include "python_module/pyasset.hpp"
#include "python_module/pyutils.hpp"
#include "qfd/grid_time.hpp"

namespace velkor::py {

std::expected<MCParams, PyParseError> get_mc_params(PyObject* dataset) {
    auto assets = create_assets(dataset);
    if (!assets) return std::unexpected(std::move(assets.error()));
    auto mc = get_dict(dataset, "MC");
    if (!mc) return std::unexpected(std::move(mc.error()));
    auto paths = get_typed<std::size_t>(mc->get(), "PATHS");
    if (!paths) return std::unexpected(std::move(paths.error()));
    auto seed = get_typed<std::uint64_t>(mc->get(), "SEED");
    if (!seed) return std::unexpected(std::move(seed.error()));
    auto flags = get_flag(mc->get());
    if (!flags) return std::unexpected(std::move(flags.error()));
    auto pricing_ts = get_typed<std::int64_t>(dataset, "PRICING_TS");
    if (!pricing_ts) return std::unexpected(std::move(pricing_ts.error()));
    return MCParams{std::move(*assets), *paths, *seed, *pricing_ts, *flags};
}

std::expected<FD1FParams, PyParseError> get_fd_1f(PyObject* dataset) {
    auto assets = create_assets(dataset);
    if (!assets) return std::unexpected(std::move(assets.error()));
    auto fd = get_dict(dataset, "FD");
    if (!fd) return std::unexpected(std::move(fd.error()));
    auto n_x = get_typed<std::size_t>(fd->get(), "N_X");
    if (!n_x) return std::unexpected(std::move(n_x.error()));
    // 2 * n_x + 1 grid points must not wrap around; one point has no spacing.
    if (*n_x == 0 || *n_x > (std::numeric_limits<std::size_t>::max() - 1) / 2)
        return std::unexpected(PyParseError::InvalidValue{"N_X", std::to_string(*n_x)});
    auto max_x = get_typed<double>(fd->get(), "MAX_X");
    if (!max_x) return std::unexpected(std::move(max_x.error()));
    auto timestep = get_typed<double>(fd->get(), "TIMESTEP");
    if (!timestep) return std::unexpected(std::move(timestep.error()));
    // The walk moves by whole milliseconds; a shorter (or negative, or NaN) step never advances.
    if (timestep_millis(*timestep) < 1)
        return std::unexpected(PyParseError::InvalidValue{"TIMESTEP", format_number(*timestep)});
    auto flags = get_flag(fd->get());
    if (!flags) return std::unexpected(std::move(flags.error()));
    auto pricing_ts = get_typed<std::int64_t>(dataset, "PRICING_TS");
    if (!pricing_ts) return std::unexpected(std::move(pricing_ts.error()));
    return FD1FParams{std::move(*assets), *n_x,        *max_x, 2 * *n_x + 1,
                      *timestep,          *pricing_ts, *flags};
}

std::expected<HullWhiteCN, PyParseError> get_hull_white(PyObject* dataset) {
    auto params = get_fd_1f(dataset);
    if (!params) return std::unexpected(std::move(params.error()));
    auto hw = get_dict(dataset, "HW");
    if (!hw) return std::unexpected(std::move(hw.error()));
    auto meanrev = get_typed<double>(hw->get(), "MEANREV");
    if (!meanrev) return std::unexpected(std::move(meanrev.error()));
    auto vol = get_typed<double>(hw->get(), "VOL");
    if (!vol) return std::unexpected(std::move(vol.error()));
    return HullWhiteCN{std::move(*params), *meanrev, *vol};
}

std::expected<BlackScholesCN, PyParseError> get_black_scholes(PyObject* dataset) {
    auto params = get_fd_1f(dataset);
    if (!params) return std::unexpected(std::move(params.error()));
    auto bs = get_dict(dataset, "BS");
    if (!bs) return std::unexpected(std::move(bs.error()));
    auto vol = get_typed<double>(bs->get(), "VOL");
    if (!vol) return std::unexpected(std::move(vol.error()));
    auto asset = get_str(bs->get(), "ASSET");
    if (!asset) return std::unexpected(std::move(asset.error()));
    return BlackScholesCN{std::move(*params), std::move(*asset), *vol};
}

std::expected<Fixed, PyParseError> get_fixed(PyObject* dataset) {
    auto assets = create_assets(dataset);
    if (!assets) return std::unexpected(std::move(assets.error()));
    auto pricing_ts = get_typed<std::int64_t>(dataset, "PRICING_TS");
    if (!pricing_ts) return std::unexpected(std::move(pricing_ts.error()));
    std::uint32_t flags = 0;
    if (auto section = get_dict(dataset, "FIXED")) {
        auto read = get_flag(section->get());
        if (!read) return std::unexpected(std::move(read.error()));
        flags = *read;
    }
    return Fixed{FixedParams{std::move(*assets), *pricing_ts, flags}};
}

}  // namespace velkor::py
