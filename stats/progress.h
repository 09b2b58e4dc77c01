#ifndef CONCORDA_STATS_PROGRESS_H
#define CONCORDA_STATS_PROGRESS_H

#include <functional>

namespace stats {

// How a long computation tells its caller how far it has come: called now and then with the
// share of the work done, in [0, 1]. Returning false asks the computation to stop; it then
// returns as soon as it can, saying that it stopped, with no figures.
using ProgressCallback = std::function<bool(double done)>;

} // namespace stats

#endif
