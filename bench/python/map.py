m = {}
i = 0
while i < 1000000:
    m[i] = i
    i = i + 1
total = 0
i = 0
while i < 1000000:
    total = total + m[i]
    i = i + 1
print(len(m), total)
