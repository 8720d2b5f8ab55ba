// The units this program can make, by type/subtype code. The graphic equaliser
// ('greq') is not among them: its chain is built from parametric equalisers.
// Nor is the network sender ('nsnd'): it needs a peer on the network, so it is
// reported as unavailable and sections carrying it play unprocessed.
#include "effects/EffectCatalogue.h"
#include "effects/EffectKernels.h"
#include "effects/EffectUnit.h"

namespace wavomer {

namespace {

const EffectComponent kComponents[] = {
    {kEffectUnitType, fourCharCode("lmtr"), kEffectManufacturer, makePeakLimiterKernel, nullptr},
    {kEffectUnitType, fourCharCode("dcmp"), kEffectManufacturer, makeDynamicsProcessorKernel, nullptr},
    {kEffectUnitType, fourCharCode("lpas"), kEffectManufacturer, makeLowPassKernel, nullptr},
    {kEffectUnitType, fourCharCode("hpas"), kEffectManufacturer, makeHighPassKernel, nullptr},
    {kEffectUnitType, fourCharCode("bpas"), kEffectManufacturer, makeBandPassKernel, nullptr},
    {kEffectUnitType, fourCharCode("hshf"), kEffectManufacturer, makeHighShelfKernel, nullptr},
    {kEffectUnitType, fourCharCode("lshf"), kEffectManufacturer, makeLowShelfKernel, nullptr},
    {kEffectUnitType, fourCharCode("pmeq"), kEffectManufacturer, makeParametricEQKernel, nullptr},
    {kEffectUnitType, fourCharCode("dist"), kEffectManufacturer, makeDistortionKernel, nullptr},
    {kEffectUnitType, fourCharCode("nbeq"), kEffectManufacturer, makeNBandEQKernel, addNBandEQParameters},
    {kEffectUnitType, fourCharCode("mrev"), kEffectManufacturer, makeMatrixReverbKernel, nullptr},
    {kEffectUnitType, fourCharCode("filt"), kEffectManufacturer, makeAUFilterKernel, nullptr},
    {kEffectUnitType, fourCharCode("rogr"), kEffectManufacturer, makeRogerBeepKernel, nullptr},
    {kEffectUnitType, fourCharCode("mcmp"), kEffectManufacturer, makeMultiBandCompressorKernel, nullptr},
};

}  // namespace

const EffectComponent* findEffectComponent(uint32_t type, uint32_t subtype, uint32_t manufacturer) noexcept {
    for (const auto& c : kComponents)
        if (c.type == type && c.subtype == subtype && c.manufacturer == manufacturer) return &c;
    return nullptr;
}

}  // namespace wavomer
