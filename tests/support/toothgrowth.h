// SPDX-License-Identifier: GPL-3.0-or-later
// Crampton's guinea-pig tooth lengths (R's ToothGrowth): 60 scores, supplement (VC, OJ) x dose
// (0.5, 1, 2 mg) x 10; supplement cycles fastest, then dose, then the subject (or replicate).
// Tests compare the program with published analyses of these data.
#pragma once

#include <vector>

namespace varisect {

inline const std::vector<float> kToothGrowth = {
    4.2f,  15.2f, 16.5f, 19.7f, 23.6f, 25.5f, 11.5f, 21.5f, 16.5f, 23.3f, 18.5f, 26.4f, 7.3f,  17.6f, 15.2f,
    23.6f, 33.9f, 22.4f, 5.8f,  9.7f,  17.3f, 26.4f, 25.5f, 24.5f, 6.4f,  14.5f, 22.5f, 20.0f, 26.4f, 24.8f,
    10.0f, 10.0f, 17.3f, 25.2f, 32.5f, 30.9f, 11.2f, 8.2f,  13.6f, 25.8f, 26.7f, 26.4f, 11.2f, 9.4f,  14.5f,
    21.2f, 21.5f, 27.3f, 5.2f,  16.5f, 18.8f, 14.5f, 23.3f, 29.4f, 7.0f,  9.7f,  15.5f, 27.3f, 29.5f, 23.0f};

}  // namespace varisect
