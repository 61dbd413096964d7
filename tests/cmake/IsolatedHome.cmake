# corvane_isolated_test(<test name> <home> <command> [<arg>...]) adds a test
# that runs in a home of its own, emptied before every run: HOME, the settings
# file, the XDG config folder and a private runtime folder all lie inside it,
# so no test reads or writes the user's. Qt draws offscreen. Callers add
# LABELS and TIMEOUT, and more environment with APPEND PROPERTY ENVIRONMENT.
function(corvane_isolated_test name home)
  add_test(NAME ${name}
    COMMAND sh -c "rm -rf '${home}' && mkdir -p '${home}/runtime' && chmod 700 '${home}/runtime' && exec \"$@\""
            sh ${ARGN})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${home}/runtime;CORVANE_PROFILE=${home}/corvane.ini;XDG_CONFIG_HOME=${home}/config;HOME=${home}")
endfunction()
