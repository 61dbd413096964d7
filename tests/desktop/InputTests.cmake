# Keyboard input on a real X server: Escape in the Font dialog, dead keys on a
# German layout, keys typed while the "Database loaded" box is up, and the
# lock-key panes, typed keys' bytes in their order, the first keys on a
# keyboard with another map, and keys after Escape closed a menu.
foreach(case font_escape dead_keys notice_keys lock_panes typed_order new_keyboard
             menu_escape)
  corvane_desktop_test(input_${case} input_cases.sh ${work}/input_${case} ${case})
endforeach()
