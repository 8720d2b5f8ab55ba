// EffectKernels: the makers of the program's own effect kernels, one per unit
// subtype, grouped by family in FilterKernels, DynamicsKernels,
// DistortionKernel, ReverbKernel and RogerBeepKernel. EffectComponents lists
// them under their type/subtype codes.
#pragma once

#include <memory>

#include "effects/EffectKernel.h"

namespace wavomer {

// Filters: RBJ cookbook sections.
std::unique_ptr<EffectKernel> makeLowPassKernel();
std::unique_ptr<EffectKernel> makeHighPassKernel();
std::unique_ptr<EffectKernel> makeBandPassKernel();
std::unique_ptr<EffectKernel> makeHighShelfKernel();
std::unique_ptr<EffectKernel> makeLowShelfKernel();
std::unique_ptr<EffectKernel> makeParametricEQKernel();
std::unique_ptr<EffectKernel> makeNBandEQKernel();
std::unique_ptr<EffectKernel> makeAUFilterKernel();
// The N band equaliser's per-band parameters beyond the catalogue's first band.
void addNBandEQParameters(EffectParameters& parameters);
constexpr int kNBandEQBands = 8;

// Dynamics.
std::unique_ptr<EffectKernel> makePeakLimiterKernel();
std::unique_ptr<EffectKernel> makeDynamicsProcessorKernel();
std::unique_ptr<EffectKernel> makeMultiBandCompressorKernel();

std::unique_ptr<EffectKernel> makeDistortionKernel();
std::unique_ptr<EffectKernel> makeMatrixReverbKernel();
std::unique_ptr<EffectKernel> makeRogerBeepKernel();

}  // namespace wavomer
