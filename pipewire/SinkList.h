#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltra::pipewire {

struct Sink {
    std::string name;         // node.name
    std::string description;  // node.description
};

// What the running PipeWire has, as pw-dump reports it: the output sinks (not counting the
// VeltraDsp sink itself) and the VeltraDsp chains that play into a sink now.
class SinkList {
  public:
    // Parses pw-dump's JSON; nullopt if it is not such a list.
    static std::optional<SinkList> parse(const std::string& json);
    // Runs pw-dump; nullopt when PipeWire cannot be reached.
    static std::optional<SinkList> query();

    const std::vector<Sink>& sinks() const { return sinks_; }
    bool has(const std::string& sink) const;
    // A VeltraDsp chain's output stream targets this sink.
    bool running(const std::string& sink) const;
    // An input device (a microphone) of this name.
    bool hasSource(const std::string& source) const;
    // The VeltraDsp sink exists now.
    bool chainPresent() const { return chainPresent_; }

  private:
    std::vector<Sink> sinks_;
    std::vector<std::string> chainTargets_;
    std::vector<std::string> sources_;
    bool chainPresent_ = false;
};

}  // namespace veltra::pipewire
