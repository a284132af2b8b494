h = {}
i = 0
while i < 1000000:
    h[i] = True
    i = i + 1
found = 0
i = 0
while i < 1000000:
    if i in h:
        found = found + 1
    i = i + 1
print(len(h), found)
