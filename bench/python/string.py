parts = []
i = 0
while i < 1000000:
    parts.append("ab")
    parts.append("c")
    i = i + 1
print(len("".join(parts)))
