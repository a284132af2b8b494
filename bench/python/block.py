b = []
i = 0
while i < 1000000:
    b.append(i)
    i = i + 1
print(len(b))
