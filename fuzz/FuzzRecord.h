// A record of any class for the fuzz targets: it takes whatever keys the archive's
// records commonly carry, so that the decoder walks every kind of value without
// the model classes' side effects (opening sample data files named in the input).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/KeyedArchive.h"
#include "coding/CodingBase.h"

namespace wavomer::fuzz {

class FuzzRecord : public CodingBase {
public:
    explicit FuzzRecord(std::string className) : className_(std::move(className)) {}

    std::string coderClassName() const override { return className_; }
    std::vector<std::string> allCoderKeys() const override {
        return {"sectionArray", "markerTime", "audioPath", "channel", "startTime", "isMute",
                "effectDic",    "waveColor",  "root",      "a",       "b",         "c"};
    }
    CoderValue valueForKey(const std::string& key) const override {
        auto it = values_.find(key);
        return it == values_.end() ? CoderValue() : it->second;
    }
    void setValueForKey(const std::string& key, const CoderValue& value) override { values_[key] = value; }

private:
    std::string className_;
    std::map<std::string, CoderValue> values_;
};

inline archive::ClassFactory fuzzRecordFactory() {
    return [](const std::string& name) -> CoderObject { return std::make_shared<FuzzRecord>(name); };
}

}  // namespace wavomer::fuzz
