option(QV_TSAN "Build with ThreadSanitizer (not together with QV_SANITIZE)" OFF)
if(QV_SANITIZE AND QV_TSAN)
  message(FATAL_ERROR "QV_SANITIZE and QV_TSAN cannot be combined: ThreadSanitizer excludes AddressSanitizer")
endif()
if(QV_SANITIZE)
  # A sanitizer report must fail the run, so nothing recovers.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(QV_TSAN)
  # Races are checked on every run; halt_on_error in the test environment makes a report fail its test.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
