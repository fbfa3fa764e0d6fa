# One fuzz smoke run: the committed corpus (read only) plus RUNS new inputs from seed
# 1, new finds kept in a scratch folder that is emptied first. Fails on any finding.
# An undefined-behaviour report stops the run, so it counts as a finding.
if(NOT DEFINED ENV{UBSAN_OPTIONS})
  set(ENV{UBSAN_OPTIONS} "halt_on_error=1:print_stacktrace=1")
endif()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${FUZZER} -seed=1 -runs=${RUNS} -dict=${DICT} -max_len=4096
                        -artifact_prefix=${SCRATCH}/ ${SCRATCH} ${CORPUS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "fuzzer ${FUZZER} found a problem (exit ${result}); see ${SCRATCH}")
endif()
