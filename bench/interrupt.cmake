# The interrupted-run check of tests/archiv at scale (bench/interrupt.sh, run as bench_interrupt).
configure_file(${CMAKE_CURRENT_LIST_DIR}/interrupt.sh ${CMAKE_BINARY_DIR}/bench/bench_interrupt COPYONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
