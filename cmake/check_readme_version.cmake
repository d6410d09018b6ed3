# Fails unless the README's About section names the project's version.
file(READ "${README}" text)
string(FIND "${text}" "Version ${VERSION}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "README.md does not say \"Version ${VERSION}\"")
endif()
