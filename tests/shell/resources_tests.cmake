# Resource data (templates, strings, menus, tool bars, accelerators): built in every build.
qv_test(shell_resources_data_test SOURCES resources_data_test.cpp LIBS qv_resources_data)
if(QV_GUI)
  # The template builder, the menu builders and the images.
  qv_test(shell_resources_builder_test SOURCES resources_builder_test.cpp LIBS qv_resources)
  qv_test(shell_resources_menu_test SOURCES resources_menu_test.cpp LIBS qv_resources)
  # What a user meets in a built form (controls inside it, texts that fit, no overlaps); the
  # layout tests of tests/e2e use it on every template and every tab.
  add_library(qv_layout_check STATIC LayoutCheck.cpp LayoutCheck.h)
  qv_warnings(qv_layout_check)
  target_link_libraries(qv_layout_check PUBLIC qv_resources)
  # Builds every template offscreen, checks that each text fits its control and renders it
  # (to $QV_RESOURCE_SHOTS when set, for a developer to look at).
  qv_test(shell_resources_render_test SOURCES resources_render_test.cpp LIBS qv_resources qv_layout_check)
endif()
