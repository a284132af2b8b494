# Makes FOLDER empty, with a subfolder "sub" holding an empty "inner".
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER}/sub/inner)
