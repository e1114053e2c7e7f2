#include "tools/host/lv2_plugin.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include "tools/host/audio_file.h"
#include "tools/host/progress_bar.h"

namespace {

constexpr const char* kLv2Core = "http://lv2plug.in/ns/lv2core#";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string AsString(const LilvNode* node) {
  if (!node) return "";
  const char* text = lilv_node_as_string(node);
  return text ? text : "";
}

// A node the caller owns; freed when it goes.
struct OwnedNode {
  LilvNode* node;
  explicit OwnedNode(LilvNode* n) : node(n) {}
  ~OwnedNode() { lilv_node_free(node); }
  OwnedNode(const OwnedNode&) = delete;
  OwnedNode& operator=(const OwnedNode&) = delete;
};

}  // namespace

bool IsLv2Bundle(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return stat((path + "/manifest.ttl").c_str(), &info) == 0;
}

struct Lv2Plugin::Impl {
  struct ControlPort {
    uint32_t index;
    std::string name;
    std::string symbol;
    float minimum, maximum, value;
    std::vector<std::pair<std::string, float>> scalePoints;
  };
  struct Preset {
    std::string uri;
    std::string label;
  };

  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  bool active = false;
  std::string bundle;

  std::vector<std::string> uris;
  LV2_URID_Map map{};
  LV2_Feature mapFeature{};
  int32_t maxBlock = 0;
  std::vector<LV2_Options_Option> options;
  LV2_Feature optionsFeature{};

  std::vector<ControlPort> controls;
  std::vector<float> otherControls;  // control outputs and unknown control ports
  int atomInput = -1;
  std::vector<uint64_t> sequence = std::vector<uint64_t>(4096, 0);
  std::vector<uint8_t> pendingPosition;
  std::vector<Preset> presets;

  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
    auto* impl = static_cast<Impl*>(handle);
    for (size_t i = 0; i < impl->uris.size(); ++i) {
      if (impl->uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    }
    impl->uris.emplace_back(uri);
    return static_cast<LV2_URID>(impl->uris.size());
  }
  LV2_URID Urid(const char* uri) { return Map(this, uri); }

  ~Impl() {
    if (instance) {
      if (active) lilv_instance_deactivate(instance);
      lilv_instance_free(instance);
    }
    if (world) lilv_world_free(world);
  }

  void FillSequence() {
    std::fill(sequence.begin(), sequence.end(), 0);
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
    seq->atom.type = Urid(LV2_ATOM__Sequence);
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    if (pendingPosition.empty()) return;
    auto* ev = reinterpret_cast<LV2_Atom_Event*>(seq + 1);
    ev->time.frames = 0;
    std::memcpy(&ev->body, pendingPosition.data(), pendingPosition.size());
    seq->atom.size += static_cast<uint32_t>(sizeof(ev->time)) +
                      ((static_cast<uint32_t>(pendingPosition.size()) + 7u) & ~7u);
    pendingPosition.clear();
  }
};

Lv2Plugin::Lv2Plugin() : impl_(new Impl) {
  impl_->map.handle = impl_.get();
  impl_->map.map = Impl::Map;
  impl_->mapFeature.URI = LV2_URID__map;
  impl_->mapFeature.data = &impl_->map;
}

Lv2Plugin::~Lv2Plugin() = default;

Status Lv2Plugin::Load(const std::string& bundlePath) {
  if (!IsLv2Bundle(bundlePath)) {
    return Status::Fail(ExitCode::kMissingFile, "no LV2 bundle (manifest.ttl) at " + bundlePath);
  }
  Impl& m = *impl_;
  m.bundle = bundlePath;
  m.world = lilv_world_new();
  std::string dir = bundlePath;
  if (dir.back() != '/') dir += '/';
  OwnedNode bundleUri(lilv_new_file_uri(m.world, nullptr, dir.c_str()));
  lilv_world_load_bundle(m.world, bundleUri.node);
  const LilvPlugins* plugins = lilv_world_get_all_plugins(m.world);
  LilvIter* it = lilv_plugins_begin(plugins);
  if (lilv_plugins_is_end(plugins, it)) {
    return Status::Fail(ExitCode::kNotAPlugin, "the bundle describes no plug-in: " + bundlePath);
  }
  m.plugin = lilv_plugins_get(plugins, it);

  OwnedNode audioClass(lilv_new_uri(m.world, (std::string(kLv2Core) + "AudioPort").c_str()));
  OwnedNode controlClass(lilv_new_uri(m.world, (std::string(kLv2Core) + "ControlPort").c_str()));
  OwnedNode inputClass(lilv_new_uri(m.world, (std::string(kLv2Core) + "InputPort").c_str()));
  OwnedNode atomClass(lilv_new_uri(m.world, LV2_ATOM__AtomPort));
  OwnedNode position(lilv_new_uri(m.world, LV2_TIME__Position));
  const uint32_t portCount = lilv_plugin_get_num_ports(m.plugin);
  std::vector<float> minimum(portCount), maximum(portCount), defaults(portCount);
  lilv_plugin_get_port_ranges_float(m.plugin, minimum.data(), maximum.data(), defaults.data());
  m.otherControls.assign(portCount, 0.f);
  for (uint32_t i = 0; i < portCount; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(m.plugin, i);
    const bool input = lilv_port_is_a(m.plugin, port, inputClass.node);
    if (lilv_port_is_a(m.plugin, port, audioClass.node)) {
      (input ? audioIn_ : audioOut_).push_back(i);
    } else if (lilv_port_is_a(m.plugin, port, controlClass.node) && input) {
      Impl::ControlPort control;
      control.index = i;
      OwnedNode name(lilv_port_get_name(m.plugin, port));
      control.name = AsString(name.node);
      control.symbol = AsString(lilv_port_get_symbol(m.plugin, port));
      control.minimum = minimum[i];
      control.maximum = maximum[i];
      control.value = std::isnan(defaults[i]) ? 0.f : defaults[i];
      if (LilvScalePoints* points = lilv_port_get_scale_points(m.plugin, port)) {
        LILV_FOREACH(scale_points, p, points) {
          const LilvScalePoint* point = lilv_scale_points_get(points, p);
          control.scalePoints.emplace_back(AsString(lilv_scale_point_get_label(point)),
                                           lilv_node_as_float(lilv_scale_point_get_value(point)));
        }
        lilv_scale_points_free(points);
        std::sort(control.scalePoints.begin(), control.scalePoints.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
      }
      m.controls.push_back(control);
    } else if (lilv_port_is_a(m.plugin, port, atomClass.node) && input &&
               lilv_port_supports_event(m.plugin, port, position.node) && m.atomInput < 0) {
      m.atomInput = static_cast<int>(i);
    }
  }

  OwnedNode presetClass(lilv_new_uri(m.world, LV2_PRESETS__Preset));
  OwnedNode label(lilv_new_uri(m.world, LILV_NS_RDFS "label"));
  if (LilvNodes* related = lilv_plugin_get_related(m.plugin, presetClass.node)) {
    LILV_FOREACH(nodes, p, related) {
      const LilvNode* preset = lilv_nodes_get(related, p);
      lilv_world_load_resource(m.world, preset);
      LilvNode* text = lilv_world_get(m.world, preset, label.node, nullptr);
      m.presets.push_back({AsString(preset), AsString(text)});
      lilv_node_free(text);
    }
    lilv_nodes_free(related);
  }
  // Presets in the plug-in's own program order (their URIs end with the program number).
  std::sort(m.presets.begin(), m.presets.end(), [](const Impl::Preset& a, const Impl::Preset& b) {
    return a.uri.size() != b.uri.size() ? a.uri.size() < b.uri.size() : a.uri < b.uri;
  });
  return Status::Ok();
}

Status Lv2Plugin::Instantiate(double sampleRate, int maxBlock) {
  Impl& m = *impl_;
  m.maxBlock = maxBlock;
  m.options = {{LV2_OPTIONS_INSTANCE, 0, m.Urid(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                m.Urid(LV2_ATOM__Int), &m.maxBlock},
               {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  m.optionsFeature.URI = LV2_OPTIONS__options;
  m.optionsFeature.data = m.options.data();
  const LV2_Feature* features[] = {&m.mapFeature, &m.optionsFeature, nullptr};
  m.instance = lilv_plugin_instantiate(m.plugin, sampleRate, features);
  if (!m.instance) {
    return Status::Fail(ExitCode::kNotAPlugin, "the plug-in could not be instantiated: " + m.bundle);
  }
  const uint32_t portCount = lilv_plugin_get_num_ports(m.plugin);
  for (uint32_t i = 0; i < portCount; ++i) {
    lilv_instance_connect_port(m.instance, i, &m.otherControls[i]);
  }
  for (Impl::ControlPort& control : m.controls) {
    lilv_instance_connect_port(m.instance, control.index, &control.value);
  }
  if (m.atomInput >= 0) {
    m.FillSequence();
    lilv_instance_connect_port(m.instance, static_cast<uint32_t>(m.atomInput), m.sequence.data());
  }
  Activate();
  return Status::Ok();
}

void Lv2Plugin::Activate() {
  Impl& m = *impl_;
  if (!m.instance || m.active) return;
  lilv_instance_activate(m.instance);
  m.active = true;
}

void Lv2Plugin::Deactivate() {
  Impl& m = *impl_;
  if (!m.instance || !m.active) return;
  lilv_instance_deactivate(m.instance);
  m.active = false;
}

void Lv2Plugin::PrintInfo(std::FILE* out) const {
  const Impl& m = *impl_;
  OwnedNode name(lilv_plugin_get_name(m.plugin));
  OwnedNode author(lilv_plugin_get_author_name(m.plugin));
  std::fprintf(out, "Plug-in:       %s\n", m.bundle.c_str());
  std::fprintf(out, "Format:        LV2\n");
  std::fprintf(out, "URI:           %s\n", AsString(lilv_plugin_get_uri(m.plugin)).c_str());
  std::fprintf(out, "Effect name:   %s\n", AsString(name.node).c_str());
  std::fprintf(out, "Vendor:        %s\n", AsString(author.node).c_str());
  std::fprintf(out, "Channels:      %zu in, %zu out\n", audioIn_.size(), audioOut_.size());
  if (m.atomInput >= 0) {
    std::fprintf(out, "Transport:     time:Position on port %d\n", m.atomInput);
  } else {
    std::fprintf(out, "Transport:     none\n");
  }
  std::string required;
  if (LilvNodes* features = lilv_plugin_get_required_features(m.plugin)) {
    LILV_FOREACH(nodes, f, features) {
      required += (required.empty() ? "" : " ") + AsString(lilv_nodes_get(features, f));
    }
    lilv_nodes_free(features);
  }
  std::fprintf(out, "Requires:      %s\n", required.empty() ? "nothing" : required.c_str());

  std::fprintf(out, "\nParameters (%zu):\n", m.controls.size());
  std::fprintf(out, "  %3s  %-24s %-16s %-8s %s\n", "#", "name", "default", "port", "range");
  for (size_t i = 0; i < m.controls.size(); ++i) {
    const Impl::ControlPort& c = m.controls[i];
    std::string shown = std::to_string(static_cast<double>(c.value));
    for (const auto& point : c.scalePoints) {
      if (point.second == c.value) shown = point.first;
    }
    std::fprintf(out, "  %3zu  %-24s %-16s %-8u %g ... %g", i, c.name.c_str(), shown.c_str(),
                 c.index, static_cast<double>(c.minimum), static_cast<double>(c.maximum));
    if (!c.scalePoints.empty()) std::fprintf(out, " (%zu texts)", c.scalePoints.size());
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "\nPrograms (%zu):\n", m.presets.size());
  for (size_t i = 0; i < m.presets.size(); ++i) {
    std::fprintf(out, "  %3zu  %s\n", i + 1, m.presets[i].label.c_str());
  }
}

Status Lv2Plugin::ApplyPreset(const std::string& nameOrNumber) {
  Impl& m = *impl_;
  const Impl::Preset* chosen = nullptr;
  for (const Impl::Preset& preset : m.presets) {
    if (preset.label == nameOrNumber) chosen = &preset;
  }
  double number = 0.0;
  if (!chosen && ParseNumber(nameOrNumber, &number) && number >= 1 &&
      number <= static_cast<double>(m.presets.size()) && number == std::floor(number)) {
    chosen = &m.presets[static_cast<size_t>(number) - 1];
  }
  if (!chosen) return Status::Fail(ExitCode::kUnknownName, "no program " + nameOrNumber);
  OwnedNode uri(lilv_new_uri(m.world, chosen->uri.c_str()));
  OwnedNode portKey(lilv_new_uri(m.world, (std::string(kLv2Core) + "port").c_str()));
  OwnedNode symbolKey(lilv_new_uri(m.world, (std::string(kLv2Core) + "symbol").c_str()));
  OwnedNode valueKey(lilv_new_uri(m.world, LV2_PRESETS__value));
  LilvNodes* ports = lilv_world_find_nodes(m.world, uri.node, portKey.node, nullptr);
  LILV_FOREACH(nodes, p, ports) {
    const LilvNode* port = lilv_nodes_get(ports, p);
    LilvNode* symbol = lilv_world_get(m.world, port, symbolKey.node, nullptr);
    LilvNode* value = lilv_world_get(m.world, port, valueKey.node, nullptr);
    for (Impl::ControlPort& control : m.controls) {
      if (symbol && value && control.symbol == AsString(symbol)) {
        control.value = lilv_node_as_float(value);
      }
    }
    lilv_node_free(symbol);
    lilv_node_free(value);
  }
  lilv_nodes_free(ports);
  return Status::Ok();
}

Status Lv2Plugin::ApplySetting(const ParameterSetting& setting) {
  Impl& m = *impl_;
  Impl::ControlPort* found = nullptr;
  int caseBlind = 0;
  for (Impl::ControlPort& control : m.controls) {
    if (control.name == setting.name) {
      found = &control;
      caseBlind = 1;
      break;
    }
    if (Lower(control.name) == Lower(setting.name)) {
      found = &control;
      ++caseBlind;
    }
  }
  if (!found || caseBlind != 1) {
    std::string known;
    for (const Impl::ControlPort& control : m.controls) known += (known.empty() ? "" : ", ") + control.name;
    return Status::Fail(ExitCode::kUnknownName,
                        "no parameter " + setting.name + " (parameters: " + known + ")");
  }
  for (const auto& point : found->scalePoints) {
    if (point.first == setting.value) {
      found->value = point.second;
      return Status::Ok();
    }
  }
  double number = 0.0;
  if (!ParseNumber(setting.value, &number)) {
    return Status::Fail(ExitCode::kUnknownName,
                        "no value " + setting.value + " for " + found->name);
  }
  const double clamped = std::min<double>(std::max<double>(number, found->minimum), found->maximum);
  if (clamped != number) {
    std::fprintf(stderr, "quelora-host: %s: %s is outside %g ... %g\n", found->name.c_str(),
                 setting.value.c_str(), static_cast<double>(found->minimum),
                 static_cast<double>(found->maximum));
  }
  found->value = static_cast<float>(clamped);
  return Status::Ok();
}

void Lv2Plugin::SendTransport(double bpm, int64_t frame) {
  Impl& m = *impl_;
  m.pendingPosition.clear();
  if (bpm <= 0.0 || m.atomInput < 0) return;
  std::vector<uint8_t> buffer(512);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &m.map);
  lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
  LV2_Atom_Forge_Frame object;
  lv2_atom_forge_object(&forge, &object, 0, m.Urid(LV2_TIME__Position));
  lv2_atom_forge_key(&forge, m.Urid(LV2_TIME__frame));
  lv2_atom_forge_long(&forge, frame);
  lv2_atom_forge_key(&forge, m.Urid(LV2_TIME__speed));
  lv2_atom_forge_float(&forge, 1.0f);
  lv2_atom_forge_key(&forge, m.Urid(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&forge, static_cast<float>(bpm));
  lv2_atom_forge_pop(&forge, &object);
  const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
  m.pendingPosition.assign(buffer.begin(), buffer.begin() + sizeof(LV2_Atom) + atom->size);
}

void Lv2Plugin::Run(const float* const* inputs, float* const* outputs, int frames) {
  Impl& m = *impl_;
  for (size_t c = 0; c < audioIn_.size(); ++c) {
    lilv_instance_connect_port(m.instance, audioIn_[c], const_cast<float*>(inputs[c < 2 ? c : 1]));
  }
  for (size_t c = 0; c < audioOut_.size(); ++c) {
    lilv_instance_connect_port(m.instance, audioOut_[c], outputs[c < 2 ? c : 1]);
  }
  m.FillSequence();
  lilv_instance_run(m.instance, static_cast<uint32_t>(frames));
}
