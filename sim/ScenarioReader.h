// Reading a scenario's JSON objects member by member, each member with its checks, so that an
// error names the member at fault ("devices[2].media.width: must be ...").
// Threading: a reader object belongs to the one thread that reads the scenario.
#pragma once

#include <json/value.h>

#include <set>
#include <string>
#include <string_view>

#include "Result.h"

namespace nimbrel::sim {

// Thrown by the readers; each public reader turns it into a failed Result.
struct ScenarioError {
    std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what);

// One JSON object of a scenario with its position. Names beginning with "_" are comments; any
// other name that was never asked for is an error, so that typos surface.
class ScenarioObject {
  public:
    // Fails unless `object` is a JSON object.
    ScenarioObject(const Json::Value& object, std::string where);

    const std::string& Where() const { return where_; }
    std::string At(const std::string& name) const { return where_ + "." + name; }
    // Marks `name` as known; true when the object has it.
    bool Has(const std::string& name);
    const Json::Value& Raw(const std::string& name);

    std::string Text(const std::string& name, std::string fallback, std::size_t maxLength = 4096);
    int Int(const std::string& name, int fallback, int min, int max);
    bool Bool(const std::string& name, bool fallback = false);
    // A time in seconds, 0..86400; -1 when absent.
    double Seconds(const std::string& name);

    void CheckAllKnown() const;

  private:
    const Json::Value& object_;
    std::string where_;
    std::set<std::string> known_;
};

// Runs `read`, turning a ScenarioError into a failed Result.
template <typename T, typename Read>
Result<T> ReadGuarded(Read&& read) {
    try {
        return Result<T>::Ok(read());
    } catch (const ScenarioError& e) {
        return Result<T>::Fail(e.message);
    }
}

// Strict JSON: no comments, no trailing text.
Result<Json::Value> ParseScenarioJson(std::string_view text);

}  // namespace nimbrel::sim
