// A generic record for archive tests (any keys, any values) and a deep comparison
// of archived values that tells where two values differ.
#pragma once

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/KeyedArchive.h"
#include "coding/CodingBase.h"

namespace wavomer::test {

class TestRecord : public CodingBase {
public:
    TestRecord(std::string className, std::vector<std::string> keys)
        : className_(std::move(className)), keys_(std::move(keys)) {}

    std::map<std::string, CoderValue> values;
    int didDecodeCalls = 0;

    std::string coderClassName() const override { return className_; }
    std::vector<std::string> allCoderKeys() const override { return keys_; }
    CoderValue valueForKey(const std::string& key) const override {
        auto it = values.find(key);
        return it == values.end() ? CoderValue() : it->second;
    }
    void setValueForKey(const std::string& key, const CoderValue& value) override { values[key] = value; }
    void didDecode() override { ++didDecodeCalls; }

private:
    std::string className_;
    std::vector<std::string> keys_;
};

// Makes TestRecords of the given class names, each with the given keys.
inline archive::ClassFactory testRecordFactory(std::map<std::string, std::vector<std::string>> classes) {
    return [classes = std::move(classes)](const std::string& name) -> CoderObject {
        auto it = classes.find(name);
        if (it == classes.end()) return nullptr;
        return std::make_shared<TestRecord>(name, it->second);
    };
}

inline ::testing::AssertionResult sameValue(const CoderValue& a, const CoderValue& b, const std::string& where = "value") {
    if (a.value.index() != b.value.index())
        return ::testing::AssertionFailure() << where << ": kinds differ (" << a.value.index() << " vs "
                                             << b.value.index() << ")";
    if (auto x = std::get_if<double>(&a.value)) {
        double y = std::get<double>(b.value);
        if (std::bit_cast<uint64_t>(*x) != std::bit_cast<uint64_t>(y))
            return ::testing::AssertionFailure() << where << ": " << *x << " vs " << y;
        return ::testing::AssertionSuccess();
    }
    if (auto x = a.asList()) {
        const CoderList& y = *b.asList();
        if (x->size() != y.size()) return ::testing::AssertionFailure() << where << ": list sizes differ";
        for (size_t i = 0; i < x->size(); ++i) {
            auto r = sameValue((*x)[i], y[i], where + "[" + std::to_string(i) + "]");
            if (!r) return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (auto x = a.asDictionary()) {
        const CoderDictionary& y = *b.asDictionary();
        if (x->size() != y.size()) return ::testing::AssertionFailure() << where << ": dictionary sizes differ";
        for (const auto& [key, value] : *x) {
            auto it = y.find(key);
            if (it == y.end()) return ::testing::AssertionFailure() << where << ": no key " << key;
            auto r = sameValue(value, it->second, where + "." + key);
            if (!r) return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (auto x = a.asObject()) {
        const CoderObject& y = *b.asObject();
        if (!*x || !y) return (*x == y) ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << where << ": null record";
        if ((*x)->coderClassName() != y->coderClassName())
            return ::testing::AssertionFailure() << where << ": classes differ";
        for (const std::string& key : (*x)->allCoderKeys()) {
            auto r = sameValue((*x)->valueForKey(key), y->valueForKey(key), where + "." + key);
            if (!r) return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (auto x = a.asColor()) {
        const CoderColor& y = *b.asColor();
        if (std::memcmp(x, &y, sizeof y) != 0)
            return ::testing::AssertionFailure() << where << ": colours differ (" << x->red << " " << x->green << " "
                                                 << x->blue << " " << x->alpha << " vs " << y.red << " " << y.green
                                                 << " " << y.blue << " " << y.alpha << ")";
        return ::testing::AssertionSuccess();
    }
    bool same = true;
    if (auto x = std::get_if<bool>(&a.value)) same = *x == std::get<bool>(b.value);
    if (auto x = std::get_if<int32_t>(&a.value)) same = *x == std::get<int32_t>(b.value);
    if (auto x = std::get_if<int64_t>(&a.value)) same = *x == std::get<int64_t>(b.value);
    if (auto x = std::get_if<std::string>(&a.value)) same = *x == std::get<std::string>(b.value);
    if (!same) return ::testing::AssertionFailure() << where << ": scalars differ";
    return ::testing::AssertionSuccess();
}

// A parsed property list that frees itself.
struct ParsedPlist {
    plist_t node = nullptr;
    explicit ParsedPlist(const std::vector<uint8_t>& bytes) {
        plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &node);
    }
    ~ParsedPlist() {
        if (node) plist_free(node);
    }
    ParsedPlist(const ParsedPlist&) = delete;
    ParsedPlist& operator=(const ParsedPlist&) = delete;

    plist_t objects() const { return plist_dict_get_item(node, "$objects"); }
    plist_t object(uint64_t uid) const { return plist_array_get_item(objects(), static_cast<uint32_t>(uid)); }
    static uint64_t uidOf(plist_t node) {
        uint64_t value = UINT64_MAX;
        if (plist_get_node_type(node) == PLIST_UID) plist_get_uid_val(node, &value);
        return value;
    }
    // The entry a record's key refers to.
    plist_t field(plist_t record, const char* key) const { return object(uidOf(plist_dict_get_item(record, key))); }
    std::string className(plist_t record) const {
        plist_t name = plist_dict_get_item(field(record, "$class"), "$classname");
        char* text = nullptr;
        plist_get_string_val(name, &text);
        std::string out = text ? text : "";
        free(text);
        return out;
    }
    plist_t topObject(const char* key) const {
        return object(uidOf(plist_dict_get_item(plist_dict_get_item(node, "$top"), key)));
    }
};

inline std::string stringOf(plist_t node) {
    char* text = nullptr;
    plist_get_string_val(node, &text);
    std::string out = text ? text : "";
    free(text);
    return out;
}

}  // namespace wavomer::test
