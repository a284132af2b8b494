def f(x):
    return x

i = 0
n = 0
while i < 1000000:
    n = n + f(1)
    i = i + 1
print(n)
