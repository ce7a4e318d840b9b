# The command-line tool loads RDKit only for SMILES and V3000 input: an SD file is counted without
# it, a SMILES file through the module that the build put beside the core.
# Run as: cmake -DCLI=... -DSD=... -DWORK=... -P interop_module_check.cmake
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/two.smi "CCO ethanol\nc1ccccc1O phenol\n")
foreach(source IN ITEMS ${SD} ${WORK}/two.smi)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_DEBUG=files ${CLI} count ${source}
                  OUTPUT_VARIABLE counted ERROR_VARIABLE loaded RESULT_VARIABLE status)
  string(FIND "${loaded}" "libRDKit" rdkit)
  string(STRIP "${counted}" counted)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "count ${source} failed (${status}): ${counted}")
  endif()
  if(source MATCHES "\\.smi$")
    if(NOT counted STREQUAL "2" OR rdkit EQUAL -1)
      message(FATAL_ERROR "the SMILES file counted ${counted}, RDKit loaded: ${rdkit}")
    endif()
  elseif(NOT rdkit EQUAL -1)
    message(FATAL_ERROR "counting an SD file loaded RDKit")
  endif()
endforeach()
message(STATUS "RDKit loaded for the SMILES file only")
