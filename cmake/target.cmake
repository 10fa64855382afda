# The row of cmake/targets.txt for PIPEMETER_DEB_ARCH, as target_processor,
# target_triplet, target_rpm, target_oci and target_qemu ("-" is none); none
# of them set where the table has no such row.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/targets.txt target_row REGEX "^${PIPEMETER_DEB_ARCH} ")
string(REGEX REPLACE " +" ";" target_row "${target_row}")
foreach(column IN ITEMS processor triplet rpm oci qemu)
  if(target_row)
    list(POP_FRONT target_row)
    list(GET target_row 0 target_${column})
  endif()
endforeach()
