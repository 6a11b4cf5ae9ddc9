# Stands in for a test whose tool was missing when the tree was configured:
#   cmake -DTEST=<name> -DTOOL=<tool> -P MissingTool.cmake
message(FATAL_ERROR "${TEST} cannot run: ${TOOL} was not found when this tree was configured. "
                    "Install it (tools/setup-debian.sh) and configure the tree again (cmake <tree>).")
