#include "pipewire/SessionText.h"

#include <sstream>

namespace veltra::pipewire {

std::string SessionText::luaScript() const {
    std::ostringstream s;
    s << "-- The VeltraDsp Speaker sink for the output device " << sink << ", written by\n"
      << "-- veltradsp pipewire attach: the filter chain is loaded when the device appears and\n"
      << "-- unloaded when it goes, so the sink plays only into it. Remove with detach.\n"
      << kLuaMarker << "sink = " << sink << "\n"
      << kLuaMarker << "preset = " << preset << "\n"
      << kLuaMarker << "created = " << created << "\n"
      << "local sink = \"" << sink << "\"\n"
      << "local arguments = [==[\n"
      << arguments << "]==]\n"
      << "-- One chain at a time. It is unloaded by dropping the module's last reference and\n"
      << "-- collecting it at once, while the device's removal is being handled: the chain's\n"
      << "-- output may not move to another device, so a moment later the session manager ends\n"
      << "-- that stream, and a chain still loaded then unloads itself, after which collecting\n"
      << "-- its object would free it a second time. The base library's collector is the one\n"
      << "-- outside the script's sandbox.\n"
      << "local collect = package.loaded._G.collectgarbage\n"
      << "local state = { chain = nil }\n"
      << "local devices = ObjectManager {\n"
      << "  Interest {\n"
      << "    type = \"node\",\n"
      << "    Constraint { \"node.name\", \"equals\", sink },\n"
      << "    Constraint { \"media.class\", \"equals\", \"Audio/Sink\" },\n"
      << "  }\n"
      << "}\n"
      << "devices:connect(\"object-added\", function(_, _)\n"
      << "  if state.chain == nil then\n"
      << "    state.chain = LocalModule(\"libpipewire-module-filter-chain\", arguments, {})\n"
      << "  end\n"
      << "end)\n"
      << "devices:connect(\"object-removed\", function(_, _)\n"
      << "  state.chain = nil\n"
      << "  collect(\"collect\")\n"
      << "end)\n"
      << "devices:activate()\n"
      << "-- Held by the script's globals: a collected object manager would take the chain along.\n"
      << "veltradsp_attachments = veltradsp_attachments or {}\n"
      << "veltradsp_attachments[sink] = { devices = devices, state = state }\n";
    return s.str();
}

std::string SessionText::luaFragment(const std::string& stem) const {
    return "-- Loads the VeltraDsp Speaker script for " + sink +
           "; written by veltradsp pipewire attach.\n" + kLuaMarker + "sink = " + sink +
           "\nload_script(\"" + stem + ".lua\")\n";
}

std::string SessionText::softwareDspRule() const {
    std::ostringstream s;
    s << "# The VeltraDsp Speaker sink for the output device " << sink << " (WirePlumber 0.5),\n"
      << "# written by veltradsp pipewire attach; the device itself is hidden from clients.\n"
      << kConfMarker << "sink = " << sink << "\n"
      << kConfMarker << "preset = " << preset << "\n"
      << kConfMarker << "created = " << created << "\n"
      << "node.software-dsp.rules = [\n"
      << "    {   matches = [ { node.name = \"" << sink << "\" } ]\n"
      << "        actions = {\n"
      << "            create-filter = {\n"
      << "                hide-parent = true\n"
      << "                filter-graph = " << arguments << "            }\n"
      << "        }\n"
      << "    }\n"
      << "]\n"
      << "wireplumber.profiles = {\n"
      << "    main = { node.software-dsp = required }\n"
      << "}\n";
    return s.str();
}

std::string SessionText::recorded(const std::string& text, const std::string& marker,
                                  const std::string& key) {
    std::istringstream lines(text);
    const std::string prefix = marker + key + " = ";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    return {};
}

}  // namespace veltra::pipewire
