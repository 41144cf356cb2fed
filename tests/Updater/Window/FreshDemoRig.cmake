# A fresh copy of the demo rig (rig file and its content files, no flash or
# boot records): cmake -DFROM=<Shared/data> -DTO=<folder> -P FreshDemoRig.cmake
file(REMOVE_RECURSE ${TO})
file(MAKE_DIRECTORY ${TO})
file(COPY ${FROM}/DemoRig.json ${FROM}/DemoRig DESTINATION ${TO})
