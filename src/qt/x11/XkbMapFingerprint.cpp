#include "x11/XkbMapFingerprint.h"

#if defined(CORVANE_HAVE_XKB)
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

std::vector<unsigned long> XkbMapFingerprint(const _XkbDesc& desc) {
  const XkbDescRec* xkb = &desc;
  std::vector<unsigned long> print{xkb->min_key_code, xkb->max_key_code};
  const auto mods = [&print](const XkbModsRec& m) {
    print.insert(print.end(), {m.mask, m.real_mods, m.vmods});
  };
  if (XkbClientMapPtr map = xkb->map) {
    print.push_back(map->num_types);
    for (int t = 0; t < map->num_types; ++t) {
      const XkbKeyTypeRec& type = map->types[t];
      mods(type.mods);
      print.insert(print.end(), {type.num_levels, type.map_count});
      for (int e = 0; e < type.map_count; ++e) {
        print.insert(print.end(),
                     {static_cast<unsigned long>(type.map[e].active), type.map[e].level});
        mods(type.map[e].mods);
        if (type.preserve) mods(type.preserve[e]);
      }
    }
  }
  XkbServerMapPtr server = xkb->server;
  if (server) print.insert(print.end(), server->vmods, server->vmods + XkbNumVirtualMods);
  for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
    const auto key = static_cast<KeyCode>(code);
    if (XkbClientMapPtr map = xkb->map) {
      const XkbSymMapRec& syms = map->key_sym_map[key];
      print.insert(print.end(), {syms.kt_index[0], syms.kt_index[1], syms.kt_index[2],
                                 syms.kt_index[3], syms.group_info, syms.width});
      print.insert(print.end(), XkbKeySymsPtr(xkb, key),
                   XkbKeySymsPtr(xkb, key) + XkbKeyNumSyms(xkb, key));
      if (map->modmap) print.push_back(map->modmap[key]);
    }
    if (!server) continue;
    print.insert(print.end(), {server->vmodmap ? server->vmodmap[key] : 0UL,
                               server->c_explicit ? server->c_explicit[key] : 0UL});
    if (server->behaviors)
      print.insert(print.end(), {server->behaviors[key].type, server->behaviors[key].data});
    if (!server->key_acts || !XkbKeyHasActions(xkb, key)) continue;
    const XkbAction* actions = XkbKeyActionsPtr(xkb, key);
    for (int a = 0; a < XkbKeyNumActions(xkb, key); ++a) {
      print.push_back(actions[a].any.type);
      print.insert(print.end(), actions[a].any.data, actions[a].any.data + XkbAnyActionDataSize);
    }
  }
  return print;
}
#endif
