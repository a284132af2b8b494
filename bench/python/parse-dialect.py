import re

command = r'(?:move \d+ \d+|turn (?:left|right)|say "[^"]*")'
pattern = re.compile(command + "(?: " + command + ")*")
program = 'move 10 20 turn left say "hi" move 1 2 turn right'
n = 0
for _ in range(1000000):
    if pattern.fullmatch(program):
        n = n + 1
print(n)
